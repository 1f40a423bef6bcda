# Writes the trust manifest: the helper's SHA-256 and those of the programs
# it serves. The helper refuses everything unless the manifest, the programs
# and their folder are writable by their owner alone, so the build makes
# them so whatever the umask was. When INSTALLING, the folder is a shared
# programs folder and is left as it is.
file(SHA256 "${HELPER}" helper_digest)
string(REPLACE "|" ";" parents "${PARENTS}")
set(parent_digests "")
set(files "${HELPER}")
foreach(parent IN LISTS parents)
  file(SHA256 "${parent}" digest)
  list(APPEND parent_digests "\"${digest}\"")
  list(APPEND files "${parent}")
endforeach()
string(JOIN ", " parent_list ${parent_digests})
file(WRITE "${MANIFEST}" "{\"helper\": \"${helper_digest}\", \"parents\": [${parent_list}]}\n")
foreach(f IN LISTS files)
  file(CHMOD "${f}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
       WORLD_READ WORLD_EXECUTE)
endforeach()
file(CHMOD "${MANIFEST}" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
if(NOT INSTALLING)
  get_filename_component(folder "${MANIFEST}" DIRECTORY)
  file(CHMOD "${folder}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
       WORLD_READ WORLD_EXECUTE)
endif()
