# Fills FOLDER with hostile plugin libraries from FIXTURES, runs zarixctl CTL with ARGS over it
# and checks the exit code and that every text of EXPECT occurs in the output, in any order
# (the file system decides the order of the libraries). Lists are separated by "|".
#   cmake -DCTL=... -DFIXTURES=... -DFOLDER=... -DARGS="plugins|--isolated" -DEXIT=1 -DEXPECT="a|b" -P ...
file(REMOVE_RECURSE ${FOLDER})
file(MAKE_DIRECTORY ${FOLDER})
foreach(name alfa beta registercrashes startthrows registerint initint notplugin1 notplugin3 registernull noversion)
  file(COPY_FILE ${FIXTURES}/${name}.bpl ${FOLDER}/${name}.bpl)
endforeach()
file(COPY_FILE ${FIXTURES}/beta.bpl ${FOLDER}/beta-copy.bpl)
file(CREATE_LINK ${FOLDER}/alfa.bpl ${FOLDER}/alfa-hard.bpl)
file(CREATE_LINK ${FOLDER}/alfa.bpl ${FOLDER}/alfa-sym.bpl SYMBOLIC)

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
