#pragma once
// The document moved to the top of the core (adjustment/kivoMDIClient.h); this path is kept for
// callers that still include it. Nothing in the model includes it.
#include "adjustment/kivoMDIClient.h"
