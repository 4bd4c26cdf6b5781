#include "core/strip.hpp"
