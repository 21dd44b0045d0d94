#include "runtime/failure.h"

#include "runtime/messagebox.h"
#include "runtime/text.h"

#include <string_view>

namespace runtime {

namespace {
std::u16string_view describe(Fault fault) {
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

void raise(Fault fault) {
    throw Trapped{static_cast<std::int32_t>(fault), std::u16string(describe(fault))};
}

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

void TrapScope::fail(Fault fault) {
    if (failure().number == static_cast<std::int32_t>(fault)) return; // recorded already
    failure().number = static_cast<std::int32_t>(fault);
    failure().description.assign(describe(fault)); // reuses the record's storage
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
