# Fills FOLDER with hostile plugin libraries from FIXTURES, runs zarixctl CTL with ARGS over it
# and checks the exit code and that every text of EXPECT occurs in the output, in any order
# (the file system decides the order of the libraries). Lists are separated by "|".
#   cmake -DCTL=... -DFIXTURES=... -DFOLDER=... -DARGS="plugins|--isolated" -DEXIT=1 -DEXPECT="a|b" -P ...
file(REMOVE_RECURSE ${FOLDER})
file(MAKE_DIRECTORY ${FOLDER})
foreach(name alfa beta registercrashes startthrows startthrowsstd registerint initint notplugin1 notplugin3 registernull noversion)
  file(COPY_FILE ${FIXTURES}/${name}.bpl ${FOLDER}/${name}.bpl)
endforeach()
file(COPY_FILE ${FIXTURES}/beta.bpl ${FOLDER}/beta-copy.bpl)
file(CREATE_LINK ${FOLDER}/alfa.bpl ${FOLDER}/alfa-hard.bpl)
file(CREATE_LINK ${FOLDER}/alfa.bpl ${FOLDER}/alfa-sym.bpl SYMBOLIC)
foreach(name abimismatch unstamped)
  file(COPY_FILE ${FIXTURES}/${name}.bpl ${FOLDER}/${name}.bpl)
endforeach()
# Twenty cuts inside the loadable segments, where the loader itself would die of SIGBUS.
foreach(k RANGE 1 20)
  file(COPY_FILE ${FIXTURES}/beta.bpl ${FOLDER}/cut${k}.bpl)
  math(EXPR size "${k} * 256")
  execute_process(COMMAND truncate -s ${size} ${FOLDER}/cut${k}.bpl COMMAND_ERROR_IS_FATAL ANY)
endforeach()
# The same library, marked as built for AArch64 (e_machine 183 at byte 18).
file(COPY_FILE ${FIXTURES}/beta.bpl ${FOLDER}/aarch64.bpl)
execute_process(COMMAND sh -c "printf '\\267\\000' | dd of='${FOLDER}/aarch64.bpl' bs=1 seek=18 conv=notrunc status=none"
                COMMAND_ERROR_IS_FATAL ANY)

string(REPLACE "|" ";" arguments "${ARGS}")
execute_process(COMMAND ${CTL} ${arguments} --folder ${FOLDER}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE code)
message("${out}${err}")
if(NOT "${code}" STREQUAL "${EXIT}")
  message(FATAL_ERROR "exit ${code}, expected ${EXIT}")
endif()
string(REPLACE "|" ";" expected "${EXPECT}")
foreach(text IN LISTS expected)
  string(FIND "${out}${err}" "${text}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "missing: ${text}")
  endif()
endforeach()
file(REMOVE_RECURSE ${FOLDER})
