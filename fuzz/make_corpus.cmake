# Writes the seed corpora: cmake -DSOURCE_DIR=... -DCORPUS_DIR=... -P make_corpus.cmake
# fuzz/seeds holds seed documents saved as UTF-16 and UTF-32 for the file reader's converter.
file(GLOB docs ${SOURCE_DIR}/tests/core/data/documents/* ${SOURCE_DIR}/resources/chem/* ${SOURCE_DIR}/fuzz/seeds/*)
foreach(t fuzz_documents fuzz_chem_reader fuzz_chem_template)
  file(MAKE_DIRECTORY ${CORPUS_DIR}/${t})
  foreach(d IN LISTS docs)
    get_filename_component(n ${d} NAME)
    file(COPY_FILE ${d} ${CORPUS_DIR}/${t}/${n} ONLY_IF_DIFFERENT)
  endforeach()
endforeach()
file(WRITE ${CORPUS_DIR}/fuzz_chem_template/template.json
  "{\"schema\":\"halvora.chem_template.v0\",\"recommended\":{\"imin_a\":0.5,\"imax_a\":\"4,5\",\"f_hz\":2,\"cycle_period_ms\":500},\"cell\":{\"nominal_voltage_v\":3.2,\"nominal_capacity_ah\":5,\"electrode_area_cm2\":4},\"lut\":{\"values\":[0,0.25,0.5,1]}}")
set(entries
  "5,1.2; 15,2; 25,2.6; 30,3.2; 45,3.6" "0:3.0; 10=3.4, 20,3.6" "[[0,0],[0.3,0.1],[0.7,0.9],[1,1]]"
  "0;0.15;0.5;0.85;1" "0.5C" "2,5A" "1e308" "-0,5" " 12.5e-3 ")
file(MAKE_DIRECTORY ${CORPUS_DIR}/fuzz_schedules ${CORPUS_DIR}/fuzz_numbers ${CORPUS_DIR}/fuzz_script_line)
set(i 0)
foreach(e IN LISTS entries)
  file(WRITE ${CORPUS_DIR}/fuzz_schedules/entry${i} "${e}")
  file(WRITE ${CORPUS_DIR}/fuzz_numbers/entry${i} "${e}")
  math(EXPR i "${i} + 1")
endforeach()
file(WRITE ${CORPUS_DIR}/fuzz_script_line/set "set EdSineMax 2.5\nselect cbSEI 1\ncheck cbAutoScale 1\n")
file(WRITE ${CORPUS_DIR}/fuzz_script_line/pages "page PcParams tsCC_CV\nset edtIStep 0,1.2; 5,2\nprobe CurrentAtTime 1.5\n")
file(WRITE ${CORPUS_DIR}/fuzz_script_line/click "type EdSineF 7\nclick btnStart\nclick btnStop\n")
