#include "platform/PathSearch.h"
