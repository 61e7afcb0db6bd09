#pragma once

// Forwards to the header's present place until it moves here with the folder restructure.
#include "app/render.h"
