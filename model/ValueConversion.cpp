#include "model/ValueConversion.h"
