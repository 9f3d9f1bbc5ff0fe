#pragma once

#include <QString>

namespace vistrel {

// A file-name mask of the list's filter lines ("*.jpg"), matched without regard to case. A "*"
// never runs past a "." of the name and stops at the first occurrence of the literal text that
// follows it, so "*.jpg" refuses "a.b.jpg" and "*" alone accepts only names without a dot.
class TMask {
public:
    explicit TMask(const QString &mask) : mask_(mask) {}

    // Throws Error("Wildcards not allowed in FileName") when the name holds "*" or "?" where the
    // mask reaches it.
    bool Matches(const QString &fileName) const;

private:
    QString mask_;
};

} // namespace vistrel
