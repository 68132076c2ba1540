#include "monitor/level_record.h"
