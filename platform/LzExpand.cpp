#include "platform/LzExpand.h"
