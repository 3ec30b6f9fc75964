// The eighteen file-sharing clients the program knows, in the order they are probed and listed.
#pragma once

#include <array>
#include <cstddef>

enum class P2PClient : int {
    AresGalaxy,
    Vuze,
    BearFlix,
    BearShare,
    BitComet,
    BitTorrent,
    DCPlusPlus,
    Emule,
    Edonkey,
    FrostWire,
    Imesh,
    Kazaa,
    LimeWire,
    Morpheus,
    Shareaza,
    UTorrent,
    Warez,
    WinMx,
};

constexpr std::size_t kP2PClientCount = 18;

// Every client in table order, for loops over the catalogue.
constexpr std::array<P2PClient, kP2PClientCount> kAllP2PClients = {
    P2PClient::AresGalaxy, P2PClient::Vuze,     P2PClient::BearFlix,   P2PClient::BearShare, P2PClient::BitComet,
    P2PClient::BitTorrent, P2PClient::DCPlusPlus, P2PClient::Emule,    P2PClient::Edonkey,   P2PClient::FrostWire,
    P2PClient::Imesh,      P2PClient::Kazaa,    P2PClient::LimeWire,   P2PClient::Morpheus,  P2PClient::Shareaza,
    P2PClient::UTorrent,   P2PClient::Warez,    P2PClient::WinMx,
};

constexpr std::size_t ClientIndex(P2PClient client) { return static_cast<std::size_t>(client); }

// The text the launcher lists and APP_NAME stores: one blank, then the client's name.
const char* LauncherText(P2PClient client);
