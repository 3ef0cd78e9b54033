#include "errors.h"

#include "pairseek.h"

namespace binding {

namespace py = pybind11;

namespace {

constexpr const char* cancelledDoc =
    "Raised when a ``progress`` callback returns False: the matte was stopped before it was done.\n\n"
    "Not a KeyboardInterrupt: a cancelled matte is the caller's own choice. Ctrl-C during a matte\n"
    "raises KeyboardInterrupt as usual.";

// Created once at import and kept for the life of the interpreter.
PyObject* cancelled = nullptr;

PyObject* pythonType(pairseek::MatteError::Kind kind) {
    switch (kind) {
        case pairseek::MatteError::Kind::type: return PyExc_TypeError;
        case pairseek::MatteError::Kind::value: return PyExc_ValueError;
        case pairseek::MatteError::Kind::cancelled: return cancelled;
        case pairseek::MatteError::Kind::outOfMemory: return PyExc_MemoryError;
    }
    return PyExc_RuntimeError;
}

}  // namespace

void bindErrors(py::module_& module) {
    cancelled = PyErr_NewExceptionWithDoc("pairseek.Cancelled", cancelledDoc, PyExc_Exception, nullptr);
    if (!cancelled) throw py::error_already_set();
    module.add_object("Cancelled", py::handle(cancelled));

    // The exception carries the pipeline's one-word code ("imageRange", "sizeMismatch", ...) as `.code`.
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const pairseek::MatteError& e) {
            py::handle type = pythonType(e.kind());
            py::object error = type(e.what());
            error.attr("code") = e.code();
            PyErr_SetObject(type.ptr(), error.ptr());
        }
    });
}

}  // namespace binding
