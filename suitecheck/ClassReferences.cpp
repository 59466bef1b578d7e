// SPDX-License-Identifier: MIT
// Scanning a class file for the classes it names.
#include "suitecheck/ClassReferences.h"

#include <cstdint>

#include "suitecheck/ClassReader.h"

namespace vorlan {

namespace {

enum Tag : std::uint8_t {
    TagUtf8 = 1,
    TagClass = 7,
    TagFieldRef = 9,
    TagMethodRef = 10,
    TagInterfaceMethodRef = 11,
    TagNameAndType = 12,
    TagMethodType = 16
};

struct Constant {
    std::uint8_t tag = 0;
    std::uint32_t first = 0;  // the first index the constant holds
    std::uint32_t second = 0;
    std::string_view text;  // of a UTF-8 constant
};

std::vector<Constant> ReadConstants(ClassReader& reader) {
    const std::uint32_t count = reader.U(2);
    std::vector<Constant> pool(count);
    for (std::uint32_t i = 1; i < count; ++i) {
        Constant& constant = pool[i];
        constant.tag = static_cast<std::uint8_t>(reader.U(1));
        switch (constant.tag) {
            case 1:
                constant.text = reader.Take(reader.U(2));
                break;
            case 7:
            case 8:
            case 16:
            case 19:
            case 20:
                constant.first = reader.U(2);
                break;
            case 15:
                reader.Take(3);
                break;
            case 9:
            case 10:
            case 11:
            case 12:
            case 17:
            case 18:
                constant.first = reader.U(2);
                constant.second = reader.U(2);
                break;
            case 3:
            case 4:
                reader.Take(4);
                break;
            case 5:
            case 6:
                reader.Take(8);
                ++i;  // takes two slots
                break;
            default:
                throw std::runtime_error("unknown constant pool tag " + std::to_string(constant.tag));
        }
    }
    return pool;
}

std::string_view TextAt(const std::vector<Constant>& pool, std::uint32_t index) {
    return index < pool.size() && pool[index].tag == TagUtf8 ? pool[index].text : std::string_view();
}

// The class a Class constant names, or the class of a field or method
// reference (whose class index must be a Class constant: a reference that
// points at a reference, or at itself, names nothing); empty for any other
// constant.
std::string_view ClassAt(const std::vector<Constant>& pool, std::uint32_t index) {
    if (index >= pool.size()) return {};
    const Constant& constant = pool[index];
    const bool reference =
        constant.tag == TagFieldRef || constant.tag == TagMethodRef || constant.tag == TagInterfaceMethodRef;
    const std::uint32_t classIndex = reference ? constant.first : index;
    if (classIndex >= pool.size() || pool[classIndex].tag != TagClass) return {};
    return TextAt(pool, pool[classIndex].first);
}

// The class types of a field or method descriptor ("(ILa/B;)[Lc/D;").
void AddDescriptorClasses(std::string_view descriptor, std::set<std::string>& classes) {
    for (std::size_t at = descriptor.find('L'); at != std::string_view::npos; at = descriptor.find('L', at)) {
        const std::size_t end = descriptor.find(';', at);
        if (end == std::string_view::npos) return;
        if (end > at + 1) classes.emplace(descriptor.substr(at + 1, end - at - 1));
        at = end + 1;
    }
}

// A Class constant's name: a class, or an array type ("[[La/B;", "[I").
void AddClassName(std::string_view name, std::set<std::string>& classes) {
    if (name.empty()) return;
    if (name.front() == '[')
        AddDescriptorClasses(name, classes);
    else
        classes.emplace(name);
}

void AddPoolClasses(const std::vector<Constant>& pool, std::set<std::string>& classes) {
    for (const Constant& constant : pool) {
        if (constant.tag == TagClass) AddClassName(TextAt(pool, constant.first), classes);
        if (constant.tag == TagNameAndType) AddDescriptorClasses(TextAt(pool, constant.second), classes);
        if (constant.tag == TagMethodType) AddDescriptorClasses(TextAt(pool, constant.first), classes);
    }
}

// The index of the constant an instruction uses, or 0 when it uses none that
// can name a class: field access, calls, new, casts, and ldc of a class.
std::uint32_t ConstantIndexOf(std::string_view code, std::size_t pc) {
    const auto byte = [&code](std::size_t at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(code[at]));
    };
    const std::uint32_t op = byte(pc);
    if (op == 0x12) return byte(pc + 1);
    const bool usesIndex =
        op == 0x13 || (op >= 0xB2 && op <= 0xB9) || op == 0xBB || op == 0xBD || op == 0xC0 || op == 0xC1 || op == 0xC5;
    return usesIndex ? (byte(pc + 1) << 8) | byte(pc + 2) : 0;
}

// The classes the code of a Code attribute names.
void AddCodeClasses(std::string_view codeAttribute, const std::vector<Constant>& pool, std::set<std::string>& classes) {
    ClassReader reader(codeAttribute);
    reader.Take(4);  // max_stack, max_locals
    const std::string_view code = reader.Take(reader.U(4));
    for (std::size_t pc = 0; pc < code.size();) {
        const std::size_t length = InstructionLength(code, pc);
        if (length == 0) throw std::runtime_error("an unknown instruction");
        if (const std::uint32_t index = ConstantIndexOf(code, pc); index != 0)
            AddClassName(ClassAt(pool, index), classes);
        pc += length;
    }
}

// Fields or methods: the classes of their descriptors, and of the static
// initialiser's code.
void ReadMembers(ClassReader& reader, const std::vector<Constant>& pool, ClassReferences& references) {
    for (std::uint32_t count = reader.U(2); count > 0; --count) {
        reader.Take(2);  // access flags
        const bool initialiser = TextAt(pool, reader.U(2)) == "<clinit>";
        AddDescriptorClasses(TextAt(pool, reader.U(2)), references.named);
        for (std::uint32_t attributes = reader.U(2); attributes > 0; --attributes) {
            const bool isCode = TextAt(pool, reader.U(2)) == "Code";
            const std::string_view body = reader.Take(reader.U(4));
            if (initialiser && isCode) AddCodeClasses(body, pool, references.namedAtStartUp);
        }
    }
}

}  // namespace

std::optional<ClassReferences> ReadClassReferences(std::string_view bytes) {
    ClassReader reader(bytes);
    if (bytes.size() < 4 || reader.U(4) != 0xCAFEBABE) return std::nullopt;
    reader.Take(4);  // version
    const std::vector<Constant> pool = ReadConstants(reader);
    ClassReferences references;
    reader.Take(2);  // access flags
    references.name = ClassAt(pool, reader.U(2));
    if (references.name.empty()) return std::nullopt;
    references.superclass = ClassAt(pool, reader.U(2));
    const std::uint32_t interfaceCount = reader.U(2);
    ClassReader interfaces(reader.Take(2 * std::size_t{interfaceCount}));  // a count too large fails here
    for (std::uint32_t i = 0; i < interfaceCount; ++i)
        references.interfaces.emplace_back(ClassAt(pool, interfaces.U(2)));
    AddPoolClasses(pool, references.named);
    ReadMembers(reader, pool, references);  // fields
    ReadMembers(reader, pool, references);  // methods
    references.named.erase(references.name);
    references.namedAtStartUp.erase(references.name);
    return references;
}

}  // namespace vorlan
