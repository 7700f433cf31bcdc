#pragma once
// dorvel-adj-cli run on several radios at once.
#include <string>
#include <vector>

struct RadioJob {
    std::string device;
    std::string serial;
    std::string answers;   // "" for none
};

// Runs the procedure on each radio in a process of its own; common holds
// the options every run takes (--procedure FILE, --operator O). The worst
// exit status of the runs.
int RunOnSeveralRadios(const std::vector<RadioJob>& radios, const std::vector<std::string>& common);
