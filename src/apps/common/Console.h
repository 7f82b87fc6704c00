#pragma once

#include <QCommandLineParser>
#include <QString>

// The companion programs' console. Standard output carries a program's result
// only; complaints go to standard error, each line led by the program's name
// ("j1939cfg: ...") so that a script's log tells who said it. Text goes out as
// UTF-8 and at once, so that a reader at the other end of a pipe sees each
// line as it is said.

// Names the program for `complain`; main() calls it first.
void SetConsoleProgram(const char* name);

// Writes `text` to standard output as it is.
void out(const QString& text);

// Writes `line` and a newline to standard output.
void say(const QString& line);

// Writes "program: `line`" and a newline to standard error.
void complain(const QString& line);

// The reason (an errno value) the first write to standard output failed, 0
// while none has: a result that did not reach its reader is no result.
int OutputError();

// A command line that QCommandLineParser::parse() refuses is answered in the
// program's own words, on standard error with exit status 2, rather than by
// its process().

// The first option `parser` did not know, as written on the line: "--fast",
// or "-x" for a letter. Empty when it knew them all.
QString UnknownOption(const QCommandLineParser& parser);

// Whether the line ended where a value of `option` should have followed it.
bool ValueMissing(const QCommandLineParser& parser, const QCommandLineOption& option);
