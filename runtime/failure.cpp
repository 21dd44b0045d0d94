#include "runtime/failure.h"

#include "runtime/messagebox.h"
#include "runtime/text.h"

namespace runtime {

namespace {
std::u16string describe(Fault fault) {
    switch (fault) {
    case Fault::InvalidArgument:
        return u"Invalid procedure call or argument";
    case Fault::Overflow:
        return u"Overflow";
    case Fault::TypeMismatch:
        return u"Type mismatch";
    }
    return u"Unknown failure";
}
} // namespace

void raise(Fault fault) { throw Trapped{static_cast<std::int32_t>(fault), describe(fault)}; }

FailureRecord& failure() {
    static FailureRecord record;
    return record;
}

TrapScope::TrapScope() {
    failure().number = 0;
    failure().description.clear();
}

void TrapScope::record(const Trapped& t) {
    failure().number = t.number;
    failure().description = t.description;
}

void TrapScope::report() {
    FailureRecord& rec = failure();
    if (rec.number > 0) {
        showMessage(rec.description, std::u16string(Trim(NumberText(rec.number))));
    }
    rec.number = 0;
    rec.description.clear();
}

} // namespace runtime
