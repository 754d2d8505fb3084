// A minimal host: everything it uses comes from the installed package.
#include <orv/OrvCfg.h>
#include <orv/String.h>

#include <cstdio>

int main(int, char** argv)
{
    OrvCfg::initialize(argv[0]);
    std::printf("installation: %s\n", OrvCfg::getInstallationDir().narrow());
    std::printf("schema: %s\n", OrvCfg::getConfigurationSchemaPath().narrow());
    std::printf("error: %d\n", OrvCfg::getError());
    String missing = OrvCfg::getKey(String("no.such.key"));
    OrvCfg::cleanup();
    // Without an instance the static interface answers with its fixed results.
    return missing.isEmpty() && OrvCfg::getError() == ORVCFG_NO_INSTANCE ? 0 : 1;
}
