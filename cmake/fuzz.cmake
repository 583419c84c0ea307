# libFuzzer targets, one per input that reaches us from outside: the LV2 instance,
# the state chunk, parameter text, image files and the manifest generator's buffer.
# Each runs as a short ctest over its committed corpus; scripts/fuzz.sh runs them
# longer.
if(NOT VF_FUZZ)
  return()
endif()

# New inputs go to a scratch folder in the build tree; the committed corpus is only
# read.  A single allocation above 512 MB is a finding: our inputs are a few KB.
set(VF_FUZZ_OPTIONS -timeout=10 -malloc_limit_mb=512 -print_final_stats=1)

function(vf_fuzz_target name source library)
  add_executable(fuzz_${name} ${PROJECT_SOURCE_DIR}/tests/fuzz/${source})
  target_link_libraries(fuzz_${name} PRIVATE ${library})
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  if(VF_BUILD_TESTS)
    set(work ${PROJECT_BINARY_DIR}/fuzz-test/${name})
    add_test(NAME fuzz.${name}
      COMMAND sh -c "rm -rf \"$0\" && mkdir -p \"$0/corpus\" && exec \"$@\"" ${work}
        $<TARGET_FILE:fuzz_${name}> ${VF_FUZZ_OPTIONS} -max_total_time=15 -artifact_prefix=${work}/
        ${work}/corpus ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name})
    set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 120)
  endif()
endfunction()

vf_fuzz_target(lv2_instance Lv2InstanceFuzz.cpp vf_lv2)
vf_fuzz_target(state_chunk StateChunkFuzz.cpp vf_plugin)
vf_fuzz_target(parameter_text ParameterTextFuzz.cpp vf_plugin)
vf_fuzz_target(image_loader ImageLoaderFuzz.cpp vf_graphics)
vf_fuzz_target(manifest ManifestFuzz.cpp vf_lv2)
