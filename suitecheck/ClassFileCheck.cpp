// SPDX-License-Identifier: MIT
// Class-file version and preverification of a suite's classes.
#include "suitecheck/ClassFileCheck.h"

#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "platform/ShownNames.h"
#include "suitecheck/ClassReader.h"

namespace vorlan {

namespace {

constexpr int kOldestCldcClass = 45;
constexpr int kNewestCldcClass = 48;

// The UTF-8 constants by index (other constants are empty).
std::vector<std::string_view> ReadConstantPool(ClassReader& reader) {
    const std::uint32_t count = reader.U(2);
    std::vector<std::string_view> utf8(count);
    for (std::uint32_t i = 1; i < count; ++i) {
        const std::uint32_t tag = reader.U(1);
        switch (tag) {
            case 1:
                utf8[i] = reader.Take(reader.U(2));
                break;
            case 7:
            case 8:
            case 16:
            case 19:
            case 20:
                reader.Take(2);
                break;
            case 15:
                reader.Take(3);
                break;
            case 3:
            case 4:
            case 9:
            case 10:
            case 11:
            case 12:
            case 17:
            case 18:
                reader.Take(4);
                break;
            case 5:
            case 6:
                reader.Take(8);
                ++i;
                break;  // takes two slots
            default:
                throw std::runtime_error("unknown constant pool tag " + std::to_string(tag));
        }
    }
    return utf8;
}

std::string_view Utf8At(const std::vector<std::string_view>& pool, std::uint32_t index) {
    return index < pool.size() ? pool[index] : std::string_view();
}

}  // namespace

std::size_t InstructionLength(std::string_view code, std::size_t pc) {
    const auto byte = [&code](std::size_t at) -> std::uint32_t {
        if (at >= code.size()) throw std::runtime_error("an instruction runs past the end of its code");
        return static_cast<unsigned char>(code[at]);
    };
    const auto word = [&byte](std::size_t at) {
        return (byte(at) << 24) | (byte(at + 1) << 16) | (byte(at + 2) << 8) | byte(at + 3);
    };
    const std::uint32_t op = byte(pc);
    const std::size_t padded = pc + 1 + (3 - pc % 4);  // after the 0-3 bytes that align the switch tables
    if (op == 0xAA) {
        const auto low = static_cast<std::int32_t>(word(padded + 4));
        const auto high = static_cast<std::int32_t>(word(padded + 8));
        if (high < low) throw std::runtime_error("a tableswitch whose high is below its low");
        return padded - pc + 12 + 4 * static_cast<std::size_t>(std::int64_t{high} - low + 1);
    }
    if (op == 0xAB) return padded - pc + 8 + 8 * static_cast<std::size_t>(word(padded + 4));
    if (op == 0xC4) return byte(pc + 1) == 0x84 ? 6 : 4;
    if (op <= 0x0F || (op >= 0x1A && op <= 0x35) || (op >= 0x3B && op <= 0x83) || (op >= 0x85 && op <= 0x98) ||
        (op >= 0xAC && op <= 0xB1) || op == 0xBE || op == 0xBF || op == 0xC2 || op == 0xC3)
        return 1;
    if (op == 0x10 || op == 0x12 || (op >= 0x15 && op <= 0x19) || (op >= 0x36 && op <= 0x3A) || op == 0xA9 ||
        op == 0xBC)
        return 2;
    if (op == 0x11 || op == 0x13 || op == 0x14 || op == 0x84 || (op >= 0x99 && op <= 0xA8) ||
        (op >= 0xB2 && op <= 0xB8) || op == 0xBB || op == 0xBD || op == 0xC0 || op == 0xC1 || op == 0xC6 || op == 0xC7)
        return 3;
    if (op == 0xC5) return 4;
    if (op == 0xB9 || op == 0xBA || op == 0xC8 || op == 0xC9) return 5;
    return 0;
}

namespace {

bool IsBranch(std::uint32_t op) {
    return (op >= 0x99 && op <= 0xA8) || op == 0xAA || op == 0xAB || (op >= 0xC6 && op <= 0xC9);
}

bool CodeBranches(std::string_view code) {
    for (std::size_t pc = 0; pc < code.size();) {
        const std::size_t length = InstructionLength(code, pc);
        if (length == 0) throw std::runtime_error("an unknown instruction");
        if (IsBranch(static_cast<unsigned char>(code[pc]))) return true;
        pc += length;
    }
    return false;
}

// True when a Code attribute that branches or catches has no StackMap.
bool LacksStackMap(std::string_view codeAttribute, const std::vector<std::string_view>& pool) {
    ClassReader reader(codeAttribute);
    reader.Take(4);  // max_stack, max_locals
    const std::string_view code = reader.Take(reader.U(4));
    const std::uint32_t handlers = reader.U(2);
    reader.Take(8 * static_cast<std::size_t>(handlers));
    bool hasStackMap = false;
    for (std::uint32_t count = reader.U(2); count > 0; --count) {
        hasStackMap = hasStackMap || Utf8At(pool, reader.U(2)) == "StackMap";
        reader.Take(reader.U(4));
    }
    return !hasStackMap && (handlers > 0 || CodeBranches(code));
}

void SkipMembers(ClassReader& reader) {
    for (std::uint32_t members = reader.U(2); members > 0; --members) {
        reader.Take(6);
        for (std::uint32_t attributes = reader.U(2); attributes > 0; --attributes) {
            reader.Take(2);
            reader.Take(reader.U(4));
        }
    }
}

// The names of the methods that branch without a StackMap.
std::vector<std::string> UnverifiableMethods(ClassReader& reader, const std::vector<std::string_view>& pool) {
    std::vector<std::string> methods;
    for (std::uint32_t count = reader.U(2); count > 0; --count) {
        reader.Take(2);
        const std::string name(Utf8At(pool, reader.U(2)));
        const std::string descriptor(Utf8At(pool, reader.U(2)));
        for (std::uint32_t attributes = reader.U(2); attributes > 0; --attributes) {
            const bool isCode = Utf8At(pool, reader.U(2)) == "Code";
            const std::string_view body = reader.Take(reader.U(4));
            if (isCode && LacksStackMap(body, pool)) methods.push_back(name + descriptor);
        }
    }
    return methods;
}

}  // namespace

void CheckClassFile(const std::string& entryName, const std::string& bytes, Findings& findings) {
    try {
        ClassReader reader(bytes);
        if (reader.U(4) != 0xCAFEBABE) throw std::runtime_error("it does not begin with 0xCAFEBABE");
        reader.U(2);
        const int major = static_cast<int>(reader.U(2));
        if (major < kOldestCldcClass || major > kNewestCldcClass) {
            findings.Error(rules::kClassVersion, ShownFileName(entryName) + ": class-file version " +
                                                     std::to_string(major) +
                                                     "; CLDC loads versions 45 to 48 (compile for Java 1.1 to 1.4)");
            return;
        }
        const std::vector<std::string_view> pool = ReadConstantPool(reader);
        reader.Take(6);                                          // access flags, this class, superclass
        reader.Take(2 * static_cast<std::size_t>(reader.U(2)));  // interfaces
        SkipMembers(reader);                                     // fields
        for (const std::string& method : UnverifiableMethods(reader, pool))
            findings.Error(rules::kPreverified, ShownFileName(entryName) + ": method " + ShownFileName(method) +
                                                    " branches but has no StackMap: not preverified for CLDC");
    } catch (const std::exception& why) {
        findings.Error(rules::kClassFormat, ShownFileName(entryName) + ": not a readable class file: " + why.what());
    }
}

}  // namespace vorlan
