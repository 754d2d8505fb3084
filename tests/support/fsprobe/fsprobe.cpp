// A stand-in for the file-system scanner's fsprobe, built for the tests on every system.
//   fsprobe sleep S    sleeps S seconds, then exits with 0
//   fsprobe ...        (as the configuration service starts it: -shutdown) appends
//                      "<count>|<arg>|...|" and the provider line of the watched property
//                      file to the log, then exits with 3
// The log and the watched file are the two lines of <program>.conf beside the program,
// which orvtest::installProbe writes; without it the probe exits with 2.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    if (argc > 2 && std::string(argv[1]) == "sleep") {
        std::this_thread::sleep_for(std::chrono::seconds(std::atoi(argv[2])));
        return 0;
    }

    std::ifstream conf{std::filesystem::path(argv[0]).replace_extension(".conf")};
    std::string logPath, watched;
    if (!std::getline(conf, logPath) || !std::getline(conf, watched))
        return 2;
    std::ofstream log(logPath, std::ios::binary | std::ios::app);
    log << argc - 1 << '|';
    for (int i = 1; i < argc; ++i)
        log << argv[i] << '|';
    std::ifstream properties(watched);
    for (std::string line; std::getline(properties, line);)
        if (line.rfind("fscanner.provider=", 0) == 0)
            log << line << '\n';
    return 3;
}
