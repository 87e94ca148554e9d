#include "shell/result.h"

#include "shell/errorlog.h"

namespace qrn {

void reportFailure(const Failure &failure, ErrorLog &log, Prompt *prompt, const QString &module)
{
    if (failure.logged())
        log.logError(module, failure.procedure, failure.number, failure.message, failure.detail);
    else if (prompt)
        prompt->message(failure.message, failure.title, failure.icon);
}

} // namespace qrn
