#include "app/HeadlessHost.h"
