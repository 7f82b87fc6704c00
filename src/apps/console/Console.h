#pragma once

#include <QCommandLineParser>
#include <QString>

namespace j1939 {

// The companion programs' console. Standard output carries a program's result
// only; complaints go to standard error, each line led by the program's name
// ("j1939cfg: ...") so that a script's log tells who said it. Text goes out as
// UTF-8 and at once, so that a reader at the other end of a pipe sees each
// line as it is said.

// Names the program for `Complain`; main() calls it first.
void SetConsoleProgram(const char* name);

// Opens /dev/null on each of descriptors 0, 1 and 2 that the program was
// started without, and remembers which: otherwise the first descriptors Qt
// opens for itself take their numbers, and reading standard input waits on
// Qt's own events. Called before the application object is made.
void OpenClosedStandardDescriptors();
// Whether the program was started with standard input closed.
bool StandardInputClosed();

// Writes `text` to standard output as it is.
void Out(const QString& text);
// Writes `bytes` to standard output as they are.
void OutBytes(const QByteArray& bytes);

// Writes `line` and a newline to standard output.
void Say(const QString& line);

// Writes "program: `line`" and a newline to standard error.
void Complain(const QString& line);

// Why the first write to standard output failed ("No space left on device",
// "it is closed"), empty while none has: a result that did not reach its
// reader is no result.
QString OutputFailure();

// A command line that QCommandLineParser::parse() refuses is answered in the
// program's own words, on standard error with exit status 2, rather than by
// its process().

// The first option `parser` did not know, as written on the line: "--fast",
// or "-x" for a letter. Empty when it knew them all.
QString UnknownOption(const QCommandLineParser& parser);

// Whether the line ended where a value of `option` should have followed it.
bool ValueMissing(const QCommandLineParser& parser, const QCommandLineOption& option);

}  // namespace j1939
