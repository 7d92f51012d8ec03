#include "platform/RegistryStore.h"
