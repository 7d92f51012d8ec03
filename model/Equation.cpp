#include "model/Equation.h"
