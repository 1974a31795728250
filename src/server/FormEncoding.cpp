#include "server/FormEncoding.h"

namespace vendorcenter {

QString urlEncode(const QString &text)
{
    return text;
}

} // namespace vendorcenter
