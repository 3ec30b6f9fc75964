// The machine's local IPv4 addresses as dotted-quad texts, in the system's order.
#pragma once

constexpr int kLocalAddressCapacity = 100;
constexpr int kLocalAddressTextSize = 16;

extern char LocalAddressList[kLocalAddressCapacity][kLocalAddressTextSize];
extern int LocalAddressCount;

// Writes entries 0..n-1 of table and returns n (0..capacity).
int BuildLocalAddressList(char (*table)[kLocalAddressTextSize], int capacity);
