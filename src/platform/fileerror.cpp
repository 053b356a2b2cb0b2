#include "fileerror.h"

#include "texts.h"

#include <cerrno>

QString FileErrorMessage(int err, const QString &path)
{
    const char *text = Str::FileGeneric;
    switch (err) {
    case ENOENT:
        text = Str::FileNotFound;
        break;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
    case ELOOP:
        text = Str::FileBadPath;
        break;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        text = Str::FileAccessDenied;
        break;
    case EBUSY:
    case ETXTBSY:
    case EWOULDBLOCK:
        text = Str::FileSharingViolation;
        break;
    case ENOSPC:
    case EDQUOT:
        text = Str::FileDiskFull;
        break;
    case EMFILE:
    case ENFILE:
        text = Str::FileTooManyOpen;
        break;
    case EIO:
        text = Str::FileHardIo;
        break;
    default:
        break;
    }
    return qs(text).arg(path);
}
