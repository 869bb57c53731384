#include "apply/NotApplied.h"

namespace orvex::apply {

Error notApplied(const QString& refused, const Error& cause)
{
    return cause.kind() == Error::Kind::Refused ? cause : Error(cause.kind(), refused + cause.message());
}

Error stepFailed(const QString& refused, const QString& step, const Error& cause)
{
    if (cause.kind() == Error::Kind::Refused)
        return Error(refused + step + cause.message());
    return Error(cause.kind(), step + cause.message());
}

} // namespace orvex::apply
