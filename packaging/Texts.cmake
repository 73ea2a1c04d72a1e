# The texts of quran-json 3.1.2 that Lumaril ships: English (data/quran.txt, the default) and
# the ten others (data/CODE/quran.txt), all made by tools/setup. Each text's name in its own
# language and script names its menu entry and shortcut; its English name goes into package
# descriptions. The Debian fonts are those that draw the text whole.
set(LUMARIL_TEXTS en ar bn es fr id ru sv tr ur zh)

set(LUMARIL_TEXT_en_NATIVE "English")
set(LUMARIL_TEXT_en_ENGLISH "English")
set(LUMARIL_TEXT_ar_NATIVE "العربية")
set(LUMARIL_TEXT_ar_ENGLISH "Arabic")
set(LUMARIL_TEXT_bn_NATIVE "বাংলা")
set(LUMARIL_TEXT_bn_ENGLISH "Bengali")
set(LUMARIL_TEXT_es_NATIVE "Español")
set(LUMARIL_TEXT_es_ENGLISH "Spanish")
set(LUMARIL_TEXT_fr_NATIVE "Français")
set(LUMARIL_TEXT_fr_ENGLISH "French")
set(LUMARIL_TEXT_id_NATIVE "Bahasa Indonesia")
set(LUMARIL_TEXT_id_ENGLISH "Indonesian")
set(LUMARIL_TEXT_ru_NATIVE "Русский")
set(LUMARIL_TEXT_ru_ENGLISH "Russian")
set(LUMARIL_TEXT_sv_NATIVE "Svenska")
set(LUMARIL_TEXT_sv_ENGLISH "Swedish")
set(LUMARIL_TEXT_tr_NATIVE "Türkçe")
set(LUMARIL_TEXT_tr_ENGLISH "Turkish")
set(LUMARIL_TEXT_ur_NATIVE "اردو")
set(LUMARIL_TEXT_ur_ENGLISH "Urdu")
set(LUMARIL_TEXT_zh_NATIVE "中文")
set(LUMARIL_TEXT_zh_ENGLISH "Chinese")

# The folder of a text's verse file in the source tree: English at the top of data/.
function(lumaril_text_source_file code out)
    if(code STREQUAL "en")
        set(${out} ${PROJECT_SOURCE_DIR}/data/quran.txt PARENT_SCOPE)
    else()
        set(${out} ${PROJECT_SOURCE_DIR}/data/${code}/quran.txt PARENT_SCOPE)
    endif()
endfunction()
