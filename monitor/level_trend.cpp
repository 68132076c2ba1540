#include "monitor/level_trend.h"
