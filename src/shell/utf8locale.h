#pragma once
// The character set of the process. Names and texts of the databases, of the Access files and of
// the file system are UTF-8; Qt, libmdb's iconv conversions and glib-based tools want a UTF-8
// LC_CTYPE to read and print them. A minimal system often has no LANG at all (the C locale,
// ASCII), and Qt then switches LC_CTYPE itself with an English warning on standard error.

namespace qrn {

// Called first thing in main, before the application object and before any child process is
// started: when the locale of the environment has no UTF-8 character set, LC_CTYPE becomes the
// UTF-8 variant of the same locale (or C.UTF-8) in the environment, which children inherit,
// while every other category keeps the value the environment gave it. Answers whether the
// character set is UTF-8 afterwards.
bool useUtf8CharacterSet();

} // namespace qrn
