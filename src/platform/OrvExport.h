#ifndef ORV_EXPORT_H
#define ORV_EXPORT_H

// Symbol visibility of the three shared libraries. Everything is hidden by default; a class
// marked with its library's macro is part of that library's interface.
#if defined(_WIN32)
#define ORV_DECL_EXPORT __declspec(dllexport)
#define ORV_DECL_IMPORT __declspec(dllimport)
#else
#define ORV_DECL_EXPORT __attribute__((visibility("default")))
#define ORV_DECL_IMPORT __attribute__((visibility("default")))
#endif

#if defined(ORVBASE_BUILD)
#define ORVBASE_API ORV_DECL_EXPORT
#else
#define ORVBASE_API ORV_DECL_IMPORT
#endif

#if defined(ORVTRACE_BUILD)
#define ORVTRACE_API ORV_DECL_EXPORT
#else
#define ORVTRACE_API ORV_DECL_IMPORT
#endif

#if defined(ORVCFG_BUILD)
#define ORVCFG_API ORV_DECL_EXPORT
#else
#define ORVCFG_API ORV_DECL_IMPORT
#endif

#endif
