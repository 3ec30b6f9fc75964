// Thin wrappers over the standard controls the program uses.
#pragma once

#include <windows.h>
#include <string>

#include "framework/Wnd.h"

namespace fw {

class CStatic : public CWnd {};

class CButton : public CWnd {
public:
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int state) const { SendMessage(BM_SETCHECK, static_cast<WPARAM>(state)); }
};

class CComboBox : public CWnd {
public:
    int AddString(const char* text) const {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int DeleteString(int index) const { return static_cast<int>(SendMessage(CB_DELETESTRING, index)); }
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    // Searches the whole list, starting after `after`, for an item equal to text without regard to case.
    int FindStringExact(int after, const char* text) const {
        return static_cast<int>(
            SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(after), reinterpret_cast<LPARAM>(text)));
    }
    // The item's text, or an empty text for an index that names no item.
    std::string GetLBText(int index) const {
        LRESULT length = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
        if (length == CB_ERR || length < 0) return {};
        std::string text(static_cast<size_t>(length) + 1, '\0');
        LRESULT copied = SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        if (copied == CB_ERR || copied < 0) return {};
        text.resize(static_cast<size_t>(copied));
        return text;
    }
};

}  // namespace fw
