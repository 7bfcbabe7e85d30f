#pragma once
// The imaging component raises the program's file-level error (files/Error.h): every failing load, save or
// effect. These names let its code, and code that calls it, say imaging::Error as before.
#include "files/Error.h"

namespace imaging {

using files::Error;
using files::Fail;
using files::FailTruncated;
using files::FailUnsupported;
using files::FileError;
using files::Problem;

} // namespace imaging
