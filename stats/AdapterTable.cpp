// The adapter list, the interface-table snapshot and the chosen adapter's baseline.
#include "app/NimbrelDlg.h"

#include "app/Preferences.h"
#include "app/Registry.h"
#include "framework/App.h"
#include "stats/AdapterList.h"

namespace {

constexpr char kLoadFailedText[] = "Error loading Iphlpapi.dll";
constexpr INT_PTR kLoadFailedResult = 1;

}  // namespace

void CNimbrelDlg::LoadAdapterTable() {
    AdapterTable.clear();
    listedAdapterCount_ = 0;
    if (!iphelper::BindInterfaceTable()) {
        fw::AppMessageBox(kLoadFailedText, MB_OK);
        EndDialog(kLoadFailedResult);
    } else if (adapters::LoadInterfaceTable(AdapterTable)) {
        // Rows past the map's room are not listed: an item must always name its row.
        for (adapters::AdapterItem& item : adapters::BuildAdapterItems(AdapterTable, kMaxListedAdapters)) {
            adapterCombo_.AddString(item.text.c_str());
            AdapterRowMap[listedAdapterCount_++] = item.row;
        }
    }
    // A stored choice beyond the list shows no selection, and nothing is sampled until the
    // user picks an adapter.
    adapterCombo_.SetCurSel(SelectedAdapter);
}

void CNimbrelDlg::RefreshAdapterTable() { adapters::RefreshInterfaceTable(AdapterTable); }

void CNimbrelDlg::TakeBaseline() {
    if (AdapterTable.empty() || !adapters::IsListedItem(SelectedAdapter, listedAdapterCount_)) return;
    RefreshAdapterTable();
    const MIB_IFROW* row = adapters::ChosenRow(AdapterTable, AdapterRowMap, listedAdapterCount_, SelectedAdapter);
    if (!row) return;
    LastOutOctets = row->dwOutOctets;
    LastInOctets = row->dwInOctets;
    LinkSpeedDivisor = adapters::LinkSpeedDivisorFor(row->dwSpeed);
}

void CNimbrelDlg::SelectAdapter() {
    int chosen = adapterCombo_.GetCurSel();
    if (chosen == CB_ERR || chosen == SelectedAdapter) return;
    SelectedAdapter = chosen;
    TakeBaseline();
    reg::WriteDword(kNetworkValue, static_cast<DWORD>(chosen));
}
