#pragma once
// The benchmarks of fp_bench; each prints its figures with the reference it
// was measured against in the same run.
void RunBlendBench();
void RunFrameBench();
void RunFramesBench();
void RunGuiBench();
void RunIniBench();
void RunListBench();
void RunMd5Bench();
void RunMoveBench();
void RunUpdateBench();
