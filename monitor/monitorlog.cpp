#include "monitor/monitorlog.h"

Q_LOGGING_CATEGORY(lcMonitor, "zaldo.monitor")
