// tsan_suppressions.cpp: what ThreadSanitizer is not to report in the test
// programs (linked into them in ThreadSanitizer builds only).
//
// Debian's cpp-httplib is a shared library built without ThreadSanitizer.
// Its function-local statics (the regexes it parses requests with) are read
// through the compiler's inline guard check, which ThreadSanitizer cannot
// see, so two server threads reading the same static look like a race. Our
// own code around the library is instrumented and still checked.
extern "C" const char* __tsan_default_suppressions() { return "called_from_lib:libcpp-httplib.so\n"; }
