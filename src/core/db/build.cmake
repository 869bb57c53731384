# The public data the sample databases are built from ships inside the program, so that
# "orvex-cli db init" works from any folder. For a static library Qt puts the resource
# into an object library that every consumer links, so it registers itself in orvex-cli,
# orvex and the test programs alike.
set(_orvex_sample_data ${CMAKE_SOURCE_DIR}/data)
qt_add_resources(orvex_core orvex_sample_data
    PREFIX "/sampledata"
    BASE ${_orvex_sample_data}
    FILES
        "${_orvex_sample_data}/who-icd10-2010/chapters.txt"
        "${_orvex_sample_data}/who-icd10-2010/blocks.txt"
        "${_orvex_sample_data}/who-icd10-2010/codes.txt"
        "${_orvex_sample_data}/philhealth-caserates-2024/ICD PH 2024.txt"
        "${_orvex_sample_data}/philhealth-caserates-2024/ICD PH 2024_PROCEDURE.txt"
        "${_orvex_sample_data}/philhealth-konsulta-lib-icd/konsulta_lib_icd.txt")
