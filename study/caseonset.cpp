#include "caseonset.h"

namespace wallmatch {

QString onsetMethodName(OnsetMethod method)
{
    switch (method) {
    case OnsetMethod::DisplayReported:
        return QStringLiteral("display-reported");
    case OnsetMethod::ServerRoundTrip:
        return QStringLiteral("server-round-trip");
    case OnsetMethod::Handled:
        break;
    }
    return QStringLiteral("handled");
}

} // namespace wallmatch
