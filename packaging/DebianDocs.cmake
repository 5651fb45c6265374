# Run by CPack after it has staged the install and before it builds the
# package: adds the copyright file and the changelog every Debian package
# carries, which a plain install does not need.
set(doc "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share/doc/${CPACK_PACKAGE_NAME}")
file(MAKE_DIRECTORY "${doc}")
file(COPY_FILE "${CPACK_CORVANTA_PACKAGING_DIR}/copyright" "${doc}/copyright")

execute_process(COMMAND date -u -R -d "${CPACK_CORVANTA_RELEASE_DATE}"
    OUTPUT_VARIABLE CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file("${CPACK_CORVANTA_PACKAGING_DIR}/changelog.Debian.in" "${doc}/changelog.Debian" @ONLY)
# -n: no name or time stamp in the archive, as the package tools write it.
execute_process(COMMAND gzip -9nf "${doc}/changelog.Debian" COMMAND_ERROR_IS_FATAL ANY)
file(CHMOD "${doc}" DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(CHMOD "${doc}/copyright" "${doc}/changelog.Debian.gz" FILE_PERMISSIONS OWNER_READ OWNER_WRITE
    GROUP_READ WORLD_READ)

# The package is not meant for Debian's own archive, so no bug of Debian's is
# closed by it.
set(overrides "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share/lintian/overrides")
file(MAKE_DIRECTORY "${overrides}")
file(WRITE "${overrides}/${CPACK_PACKAGE_NAME}"
    "${CPACK_PACKAGE_NAME}: initial-upload-closes-no-bugs\n")
