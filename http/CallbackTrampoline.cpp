#include "http/CallbackTrampoline.h"

#include <array>
#include <vector>

namespace velmora {

namespace detail {

struct TrampolineTarget {
    std::uintptr_t object = 0;
    RoutineAddress routine = nullptr;
    int argumentCount = 0;
    // What the library calls: argumentCount integers.
    ffi_cif incoming{};
    // What the trampoline calls: the object, then the same integers.
    ffi_cif outgoing{};
    std::vector<ffi_type*> argumentTypes;
};

void TrampolineTargetDeleter::operator()(TrampolineTarget* target) const {
    delete target;
}

}  // namespace detail

namespace {

ffi_type* PointerSizedInteger() {
    return sizeof(std::uintptr_t) == 8 ? &ffi_type_uint64 : &ffi_type_uint32;
}

ffi_abi CallingConvention([[maybe_unused]] bool callerCleans) {
#if defined(__i386__) && !defined(_WIN64)
    return callerCleans ? FFI_SYSV : FFI_STDCALL;
#else
    return FFI_DEFAULT_ABI;
#endif
}

// Runs on the thread that called the trampoline.
void ForwardCall(ffi_cif*, void* result, void** arguments, void* userData) {
    auto& target = *static_cast<detail::TrampolineTarget*>(userData);
    std::array<void*, kMaxTrampolineArguments + 1> forwarded;
    std::uintptr_t object = target.object;
    forwarded[0] = &object;
    for (int i = 0; i < target.argumentCount; ++i) forwarded[i + 1] = arguments[i];
    ffi_arg routineResult = 0;
    ffi_call(&target.outgoing, target.routine, &routineResult, forwarded.data());
    *static_cast<ffi_arg*>(result) = routineResult;
}

}  // namespace

CallbackTrampoline MakeCallbackTrampoline(void* object, std::span<const RoutineAddress> routines,
                                          int routineNumber, int argumentCount, bool callerCleans) {
    if (routineNumber < 1 || static_cast<std::size_t>(routineNumber) > routines.size()) return {};
    const RoutineAddress routine = routines[routineNumber - 1];
    if (routine == nullptr) return {};
    if (argumentCount < 0 || argumentCount > kMaxTrampolineArguments) return {};

    CallbackTrampoline trampoline;
    trampoline.target_.reset(new detail::TrampolineTarget);
    detail::TrampolineTarget& target = *trampoline.target_;
    target.object = reinterpret_cast<std::uintptr_t>(object);
    target.routine = routine;
    target.argumentCount = argumentCount;
    target.argumentTypes.assign(argumentCount + 1, PointerSizedInteger());
    // The incoming call lacks the object: it describes the tail of the same type list.
    if (ffi_prep_cif(&target.incoming, CallingConvention(callerCleans), argumentCount,
                     PointerSizedInteger(), target.argumentTypes.data() + 1) != FFI_OK ||
        ffi_prep_cif(&target.outgoing, FFI_DEFAULT_ABI, argumentCount + 1, PointerSizedInteger(),
                     target.argumentTypes.data()) != FFI_OK) {
        return {};
    }

    void* code = nullptr;
    trampoline.closure_.reset(
        static_cast<ffi_closure*>(ffi_closure_alloc(sizeof(ffi_closure), &code)));
    if (!trampoline.closure_ || code == nullptr) return {};
    if (ffi_prep_closure_loc(trampoline.closure_.get(), &target.incoming, ForwardCall, &target,
                             code) != FFI_OK) {
        return {};
    }
    trampoline.code_ = code;
    return trampoline;
}

}  // namespace velmora
