#ifndef VANTREL_EXPORT_H
#define VANTREL_EXPORT_H

/* What libvantrel exports; plain preprocessor, shared by the C and the C++ headers. */

#if defined(_WIN32)
#  if defined(VANTREL_BUILDING_LIBRARY)
#    define VANTREL_API __declspec(dllexport)
#  else
#    define VANTREL_API __declspec(dllimport)
#  endif
#else
#  define VANTREL_API __attribute__((visibility("default")))
#endif

#endif
