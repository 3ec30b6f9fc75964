#include "stats/LocalAddressList.h"

char LocalAddressList[kLocalAddressCapacity][kLocalAddressTextSize] = {};
int LocalAddressCount = 0;

int BuildLocalAddressList(char (*)[kLocalAddressTextSize], int) { return 0; }
