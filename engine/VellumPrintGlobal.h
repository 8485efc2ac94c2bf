#pragma once

#include <QtGlobal>

#if defined(VELLUMPRINT_LIBRARY)
#define VELLUMPRINT_EXPORT Q_DECL_EXPORT
#else
#define VELLUMPRINT_EXPORT Q_DECL_IMPORT
#endif
