#include "bench_sequence.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace bench {

void Fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    std::exit(1);
}

std::string ReadText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) Fail(path + ": cannot open");
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    file.close();
    if (!file) Fail(path + ": cannot write");
}

std::vector<FastaRecord> ReadFasta(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) Fail(path + ": cannot open");
    std::vector<FastaRecord> records;
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (line[0] == '>') {
            FastaRecord record;
            const size_t blank = line.find_first_of(" \t");
            record.name =
                line.substr(1, blank == std::string::npos ? std::string::npos : blank - 1);
            if (blank != std::string::npos) record.description = line.substr(blank + 1);
            records.push_back(std::move(record));
        } else {
            if (records.empty()) Fail(path + ": sequence before the first header");
            for (char base : line) records.back().bases += static_cast<char>(std::toupper(base));
        }
    }
    if (records.empty()) Fail(path + ": no FASTA record");
    return records;
}

void WriteFasta(const std::string& path, const std::vector<FastaRecord>& records,
                size_t lineWidth) {
    std::string text;
    for (const FastaRecord& record : records) {
        text += '>' + record.name;
        if (!record.description.empty()) text += ' ' + record.description;
        text += '\n';
        for (size_t i = 0; i < record.bases.size(); i += lineWidth)
            text += record.bases.substr(i, lineWidth) + '\n';
    }
    WriteText(path, text);
}

std::string ReverseComplement(const std::string& bases) {
    std::string result(bases.rbegin(), bases.rend());
    for (char& base : result) {
        switch (base) {
            case 'A': base = 'T'; break;
            case 'C': base = 'G'; break;
            case 'G': base = 'C'; break;
            case 'T': base = 'A'; break;
            default: break;
        }
    }
    return result;
}

std::string RandomBases(Random& random, size_t length, double gc) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::string bases(length, 'A');
    for (char& base : bases) {
        const bool strong = unit(random) < gc;
        const bool second = random() & 1;
        base = strong ? (second ? 'G' : 'C') : (second ? 'T' : 'A');
    }
    return bases;
}

std::string Mutate(Random& random, const std::string& bases, double rate) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::string result;
    result.reserve(bases.size() + 16);
    for (size_t i = 0; i < bases.size(); ++i) {
        if (unit(random) >= rate) {
            result += bases[i];
            continue;
        }
        const uint64_t kind = random() % 10;
        const size_t span = 1 + random() % 3;
        if (kind == 0) {  // insertion before this base
            for (size_t k = 0; k < span; ++k) result += "ACGT"[random() & 3];
            result += bases[i];
        } else if (kind == 1) {  // deletion of this base and a few after it
            i += span - 1;
        } else {
            char other;
            do other = "ACGT"[random() & 3];
            while (other == bases[i]);
            result += other;
        }
    }
    return result;
}

std::vector<std::vector<std::string>> ReadTsv(const std::string& path) {
    std::istringstream text(ReadText(path));
    std::vector<std::vector<std::string>> rows;
    std::string line;
    while (std::getline(text, line)) {
        if (line.empty()) continue;
        std::vector<std::string> fields;
        size_t from = 0;
        for (size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
            fields.push_back(line.substr(from, tab - from));
        fields.push_back(line.substr(from));
        rows.push_back(std::move(fields));
    }
    return rows;
}

Options::Options(int argc, char** argv, const std::map<std::string, std::string>& defaults,
                 const std::string& usage, int firstArgument)
    : values_(defaults), usage_(usage) {
    for (int i = firstArgument; i < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h") {
            std::printf("%s", usage.c_str());
            std::exit(0);
        }
        if (name.rfind("--", 0) != 0 || !values_.count(name.substr(2)) || i + 1 >= argc) {
            std::fprintf(stderr, "unknown option or missing value: %s\n%s", name.c_str(),
                         usage.c_str());
            std::exit(2);
        }
        values_[name.substr(2)] = argv[i + 1];
        given_[name.substr(2)] = true;
    }
}

const std::string& Options::Text(const std::string& name) const {
    return values_.at(name);
}

uint64_t Options::Whole(const std::string& name) const {
    char* end = nullptr;
    const std::string& text = values_.at(name);
    const uint64_t value = std::strtoull(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0') Fail("--" + name + ": not a whole number: " + text);
    return value;
}

double Options::Number(const std::string& name) const {
    char* end = nullptr;
    const std::string& text = values_.at(name);
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0') Fail("--" + name + ": not a number: " + text);
    return value;
}

bool Options::Given(const std::string& name) const {
    return given_.count(name) > 0;
}

}  // namespace bench
