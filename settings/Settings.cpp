#include "settings/Settings.h"

CSettings::CSettings() = default;
CSettings::~CSettings() = default;
