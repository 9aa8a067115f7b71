// The run-time error the program's classes raise: a number, the source that raised it and a description.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "base/text.h"

namespace pell {

class RuntimeError : public std::runtime_error {
public:
    RuntimeError(std::uint32_t number, std::wstring source, std::wstring description)
        : std::runtime_error(WideToUtf8(source + L": " + description)),
          number_(number),
          source_(std::move(source)),
          description_(std::move(description)) {}

    std::uint32_t Number() const { return number_; }
    const std::wstring& Source() const { return source_; }
    const std::wstring& Description() const { return description_; }

private:
    std::uint32_t number_;
    std::wstring source_;
    std::wstring description_;
};

}  // namespace pell
