#include "storage/storagelog.h"

Q_LOGGING_CATEGORY(lcStorage, "zaldo.storage")
