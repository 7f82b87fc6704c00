#pragma once

#include <QString>
#include <optional>

namespace j1939 {

// A step that could not be done, reported as a value to the command that started
// it: what could not be done (a file, a field, a port) and why, in words the user
// can act on. Exceptions never cross a signal or a slot.
struct Failure {
  QString what;
  QString reason;
};

using MaybeFailure = std::optional<Failure>;

// The prompt that reports a failure: what could not be done, then why.
inline QString DescribeFailure(const Failure& failure) {
  if (failure.what.isEmpty()) return failure.reason;
  if (failure.reason.isEmpty()) return failure.what;
  return failure.what + QStringLiteral(": ") + failure.reason;
}

}  // namespace j1939
