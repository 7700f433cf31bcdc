# Read by ctest after the discovered tests: see CMakeLists.txt.
set_tests_properties(Adapters.TheWholeJobOnEveryProfileWithoutATimeOutAndWithWholeFrames PROPERTIES PROCESSORS 2)
