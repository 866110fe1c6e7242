// The statuses the translator fails with, which live with every other Windows status.
#pragma once

#include "statuses.h"
