#include <doctest.h>

#include "TestSupport.h"
