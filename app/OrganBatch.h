#pragma once

#include "ZylorganReport.h"

#include <string>
#include <vector>

// The organ's say on one batch of files being added to the playlist, with the check on.
class OrganBatch {
public:
    explicit OrganBatch(bool transposeToFit) : transposeToFit(transposeToFit) {}

    struct Admission {
        bool admitted = true; // nothing against it until the check says otherwise
        int transpose = 0;    // semitones the file plays shifted by
        std::string refusal;  // why not, for the batch's summary
    };
    // A file refused only for its notes comes in at its nearest fitting transposition when
    // the user asked for that; a refusal says the check's line, then the report's.
    Admission admit(const std::string& path);

    // One line for the summary when files of the batch go beyond the organ's limits (too
    // many notes at once, fast repeats): they are added, and the user is told once.
    void tellLimits(std::vector<std::string>& summary) const;

private:
    const ZylorganScale scale;
    const bool transposeToFit;
    std::vector<std::string> beyondLimits;
};

// " (+2)" after a playlist name for a file that plays transposed; nothing for 0.
std::string transposedSuffix(int semitones);
