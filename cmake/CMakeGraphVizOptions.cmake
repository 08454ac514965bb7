# What scripts/layers-graph.sh draws: the layers and the programs, not suites or outside libraries.
set(GRAPHVIZ_GRAPH_NAME "VexaTerm layers")
set(GRAPHVIZ_EXTERNAL_LIBS FALSE)
set(GRAPHVIZ_INTERFACE_LIBS FALSE)
set(GRAPHVIZ_GENERATE_PER_TARGET FALSE)
set(GRAPHVIZ_GENERATE_DEPENDERS FALSE)
set(GRAPHVIZ_IGNORE_TARGETS "^test_" "^bench_" "^fuzz_" "vexatestsupport" "^vexafuzz" "^GTest" "^Qt6" "vexacore")
