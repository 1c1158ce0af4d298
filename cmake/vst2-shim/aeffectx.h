/* The extended VST 2.x declarations live in the same FST header as the basic ones. */
#pragma once
#include "aeffect.h"
