#include "model/Maps.h"
