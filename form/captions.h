// The captions of the fields live with the fields: folder/captions.h.
#pragma once

#include "folder/captions.h"
