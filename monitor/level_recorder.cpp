#include "monitor/level_recorder.h"
