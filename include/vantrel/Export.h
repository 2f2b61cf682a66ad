#ifndef VANTREL_EXPORT_H
#define VANTREL_EXPORT_H

/* What libvantrel exports; plain preprocessor, shared by the C and the C++ headers. */

#if defined(_WIN32)
/* vantrel.dll exports through its .def file; the library's own objects, and programs that
   link them statically (VANTREL_STATIC), import nothing. */
#  if defined(VANTREL_BUILDING_LIBRARY) || defined(VANTREL_STATIC)
#    define VANTREL_API
#  else
#    define VANTREL_API __declspec(dllimport)
#  endif
#else
#  define VANTREL_API __attribute__((visibility("default")))
#endif

#endif
