#include "model/LineStore.h"
