// The one conversion of a libzip failure into a ZipError: the French text names `subject` (an
// archive, an entry or a file), the detail keeps libzip's own message.
#pragma once

#include "ZipError.h"

#include <zip.h>

#include <string>

namespace zipcomponent {

ZipError LibzipError(const zip_error_t *error, const std::string &subject,
                     Subject kind = Subject::Archive);
// The archive's last error, which is then cleared.
ZipError LibzipError(zip_t *archive, const std::string &subject, Subject kind = Subject::Archive);
ZipError LibzipError(zip_file_t *file, const std::string &subject, Subject kind = Subject::Archive);

} // namespace zipcomponent
