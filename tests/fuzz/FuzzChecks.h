// SPDX-License-Identifier: MIT
// The bodies of the fuzz targets: each runs one input through one part of
// Vorlan and aborts with a message when an invariant breaks. libFuzzer drives
// them in the fuzz configuration; in the ordinary builds a test runs them over
// the hostile corpus, archives made by real tools and the inputs fuzzing found.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vorlan::fuzz {

// The directory reader: TZip opening a file that holds the input. It lists
// the archive or raises ZipException (or the file layer's error), and what it
// lists agrees with the end record.
int CheckDirectoryReader(const std::uint8_t* data, std::size_t size);

// The extract engine: every entry, and then the manifest, extracted from the
// input into a fresh folder. Nothing appears outside that folder, no link is
// ever made, and no file is larger than its cap. Where the engine would read
// entries' data itself, libzip opens the archive, sees the same entries and
// hands out the same data.
int CheckExtractEngine(const std::uint8_t* data, std::size_t size);

// The manifest and descriptor text form: the input loaded as a file, its size
// and URL set, its fix rewrite done, saved and loaded again. Every line is
// free of line breaks and NULs, the rewritten keys hold their written form,
// and a saved text reads back line for line.
int CheckTextForm(const std::uint8_t* data, std::size_t size);

// Aborts the process, naming the broken invariant.
[[noreturn]] void Violation(const std::string& what);

// A private folder of this process for the checks' files, made on first use
// and removed when the process ends.
const std::string& FuzzWorkFolder();

}  // namespace vorlan::fuzz
