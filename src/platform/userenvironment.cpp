#include "userenvironment.h"

#include <optional>

namespace {
std::optional<QProcessEnvironment> &kept()
{
    static std::optional<QProcessEnvironment> environment;
    return environment;
}
} // namespace

void KeepUserEnvironment()
{
    if (!kept())
        kept() = QProcessEnvironment::systemEnvironment();
}

QProcessEnvironment UserEnvironment()
{
    return kept().value_or(QProcessEnvironment::systemEnvironment());
}
