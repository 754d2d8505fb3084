#ifndef ORV_BENCH_BENCHREGISTRY_H
#define ORV_BENCH_BENCHREGISTRY_H

// Each group registers its cases once the files it reads are in place. Case names are
// "<group>/<what>/<size>"; scripts/bench.sh pairs them with their baselines by name.
namespace orvbench {

struct BenchEnvironment;

void registerParseBenchmarks(const BenchEnvironment& i_Env);
void registerRepeatParseBenchmarks();
void registerSectionBenchmarks(const BenchEnvironment& i_Env);
void registerPropertiesBenchmarks(const BenchEnvironment& i_Env);
void registerAttributesBenchmarks();
void registerTraceBenchmarks(const BenchEnvironment& i_Env);
void registerProcessBenchmarks(const BenchEnvironment& i_Env);

} // namespace orvbench

#endif
