#include <doctest.h>

#include "TestSupport.h"
#include "core/Bootstrapper.h"
