#include "monitor/overload_history.h"
