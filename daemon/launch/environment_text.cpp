#include "environment_text.h"

size_t ConvertEnvironmentText(const char* in, size_t size, char* out)
{
    size_t o = 0;
    for (size_t p = 0; p < size; ++p) {
        if (in[p] == '\r') {
            out[o++] = '\0';
            if (p + 1 < size && in[p + 1] == '\n') ++p;
        } else {
            out[o++] = in[p];
        }
    }
    out[o] = '\0';
    out[o + 1] = '\0';
    return o;
}
