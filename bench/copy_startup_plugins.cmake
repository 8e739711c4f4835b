# Fills FOLDER with the sample modules (SAMPLES, separated by ",") and gen_000.bpl ... gen_199.bpl,
# copies of SOURCE.
string(REPLACE "," ";" SAMPLES "${SAMPLES}")
foreach(sample IN LISTS SAMPLES)
  file(COPY ${sample} DESTINATION ${FOLDER})
endforeach()
foreach(i RANGE 199)
  string(LENGTH "${i}" digits)
  math(EXPR pad "3 - ${digits}")
  string(REPEAT "0" ${pad} zeros)
  file(COPY_FILE ${SOURCE} ${FOLDER}/gen_${zeros}${i}.bpl)
endforeach()
