#pragma once

constexpr char kProductName[] = "Kelvara";
constexpr char kProductVersion[] = "3.9.0";
// Fixed values the updater expects at positions 2 and 5 of its parameters.
constexpr char kUpdaterChannel[] = "2";
constexpr char kUpdaterSilent[] = "false";
