// The fixed addresses the tray menu and the banner open, and the updater's arguments.
#pragma once

#include <windows.h>

#include "res/resource.h"

// The maker's web domain; the example domain is reserved, so no real site is ever opened.
constexpr char kMakerDomain[] = "www.example.com";
constexpr char kMakerHomePage[] = "https://www.example.com/";

struct WebLink {
    UINT command;
    const char* address;
};

constexpr WebLink kWebLinks[] = {
    {ID_WEB_SAFETY, "https://www.example.org/safety"},
    {ID_WEB_FILE_SHARING, "https://www.example.org/"},
    {ID_WEB_EMUSIC, "https://www.example.net/emusic"},
    {ID_WEB_TORRENTS, "https://anonymity.example.net/?ref=kelvara"},
    {ID_WEB_MEDIA, "https://media.example.net/"},
    {ID_WEB_HELP, kMakerHomePage},
};

// The address a command opens, or null for any other command.
inline const char* WebAddressFor(UINT command) {
    for (const WebLink& link : kWebLinks) {
        if (link.command == command) return link.address;
    }
    return nullptr;
}
