#include "service_request.h"

#include "daemon_host.h"
#include "platform/daemon_request.h"
#include "service_line.h"
#include "services.h"

#include <cstring>
#include <string>

LRESULT RunRequestedService(DaemonHost& daemon, const COPYDATASTRUCT& data)
{
    if (data.dwData != kServiceRequestTag || data.lpData == nullptr || data.cbData == 0) return 0;
    // The data is another program's: it must hold one NUL, at its very end.
    const char* text = static_cast<const char*>(data.lpData);
    if (std::memchr(text, '\0', data.cbData) != text + data.cbData - 1) return 0;
    // A copy: the service may run nested message loops.
    const std::string line(text);
    const char* service = MatchServicePrefix(line.c_str());
    if (service == nullptr) return 0;
    return RunService(service, daemon);
}
