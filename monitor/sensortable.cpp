#include "monitor/sensortable.h"

#include <algorithm>
#include <cstring>

void copySensorText(const char *text, char *buf, int size)
{
    if (!buf || size < 1)
        return;
    if (!text)
        text = "";
    const size_t n = std::min(std::strlen(text), size_t(size - 1));
    if (n > 0)
        std::memcpy(buf, text, n);
    buf[n] = '\0';
}
