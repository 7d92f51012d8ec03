#include "model/Parse.h"
