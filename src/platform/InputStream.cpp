#include "InputStream.h"

InputStream::~InputStream() = default;
