// SPDX-License-Identifier: MIT
// Reading a class file's big-endian fields and its bytecode, for the class
// checks and the scan of the classes a class file names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

namespace vorlan {

// Big-endian reads over the class file; running past its end throws.
class ClassReader {
public:
    explicit ClassReader(std::string_view bytes) : bytes_(bytes) {}
    std::uint32_t U(int size) {
        if (at_ + static_cast<std::size_t>(size) > bytes_.size()) throw std::runtime_error("it ends too early");
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i) value = (value << 8) | static_cast<unsigned char>(bytes_[at_++]);
        return value;
    }
    std::string_view Take(std::size_t size) {
        if (at_ + size > bytes_.size()) throw std::runtime_error("it ends too early");
        const std::string_view taken = bytes_.substr(at_, size);
        at_ += size;
        return taken;
    }

private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

// The length of the instruction at pc of a method's code, or 0 for an opcode
// that does not exist; throws when its operands run past the code's end.
std::size_t InstructionLength(std::string_view code, std::size_t pc);

}  // namespace vorlan
