#include "monitor/level_watch.h"
