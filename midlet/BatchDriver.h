// The batch behind "Process": every entry of the file list through the step
// of the chosen mode, with the API pre-pass, the scratch folder and the
// closing message.
#pragma once

#include <cstdint>
#include <string>

namespace vorlan {

class BatchHost;
class TZip;

// Runs the whole batch before it returns.
void RunBatch(BatchHost& host);

// The two archive helpers through which all archive work of the batch goes.
// ExtractFromArchive gives the number of files the engine wrote.
std::int32_t ExtractFromArchive(TZip& zip, const std::string& pattern, const std::string& folder,
                                const std::string& archive);
void AddToArchive(TZip& zip, const std::string& pattern, const std::string& folder, const std::string& archive);

}  // namespace vorlan
