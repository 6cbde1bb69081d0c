// The eight child lists as data: file, order, filter on the employee, column format and fields.
#include <algorithm>

#include "app/card/card_numbers.h"
#include "app/card/child_lists.h"

namespace veltrano::app::card {
namespace {

const ChildListDescription kChildLists[] = {
    {kWorkHistoryList,
     "Trud",
     "Трудовая деятельность",
     "TRUD",
     "TRU:DATN_KEY",
     "(TRU:num=numg)",
     "[45R(2)|M~начало~C(0)@d6.@45R(2)|M~конец~C(0)@d6.@]|M~Дата~[20D(6)|M~дни~C(0)@n2@20D(6)|M~мес.~C(0)@n2@"
     "20D(6)|M~годы~C(0)@n2@](63)|M~Стаж~130L(2)|M~Место работы~C(0)@s50@85L(2)|M~Профессия~C(0)@s60@"
     "25L(2)|M~Код~C(0)@s20@[10R(2)|M~0~C(0)@n1@10R(2)|M~1~C(0)@n1@8R(2)|M~2~C(0)@n1@]|M~Индекс~",
     {"TRU:DATAN", "TRU:DATAK", "TRU:STAGD", "TRU:STAGM", "TRU:STAGG", "TRU:MESTO", "TRU:NOM", "TRU:KOD_PROF",
      "TRU:IND", "TRU:IND1", "TRU:IND2"},
     kWorkHistoryForm,
     Recount::kWorkHistoryFlags,
     LatestRecordList::Appointments,
     true},
    {kAppointmentList,
     "Rabota",
     "Прием на работу, назначение, перемещение",
     "RABOTA",
     "RAB:DAT_KEY",
     "(RAB:num=numg)",
     "10R(2)|M~ind~C(0)@n1@45R(2)|M~Дата~C(0)@d6.@80L(2)|M~Подразделение~C(0)@s60@80L(2)|M~Отделение~C(0)@"
     "s60@"
     "80L(2)|M~Должность~C(0)@s60@80L(2)|M~Профессия~C(0)@s60@20R(2)|M~Код~C(0)@n3b@[45R(2)|M~дата~C(0)@d6.@"
     "25L(2)|M~№~C(0)@s5@]|M~Приказ~25R(2)|M~Разряд~C(0)@n3b@80L(2)|M~Основание~C(0)@s100@"
     "60L(2)|M~Категория~C(0)@s20@",
     {"RAB:IND", "RAB:DATA", "RAB:STRUKT", "RAB:OTDELENIE", "RAB:DOLGNOST", "RAB:PROF", "RAB:STR",
      "RAB:DATA_PR", "RAB:NUM_PR", "RAB:RAZRAD", "RAB:OSNOVA", "RAB:KATEGOR"},
     kAppointmentForm,
     Recount::kLatestRecord,
     LatestRecordList::Appointments},
    {kFurtherTrainingList,
     "Povysh",
     "Повышение квалификации",
     "POVYSH",
     "POV:DATAN_KEY",
     "(POV:num=numg)",
     "10R(2)|M~ind~C(0)@n1@[43R(2)|M~начала~C(0)@d6.@43R(2)|M~окончания~C(0)@d6.@]|M~Дата~20R(3)|M~Срок~C(0)"
     "@n4`1b@63L(2)|M~Вид повышения~C(0)@s100@100L(2)|M~Наименование "
     "ВУЗа~C(0)@s70@45L(2)|M~Документ~C(0)@s20@"
     "25L(2)|M~№~C(0)@s10@41R(2)|M~Дата~C(0)@d6.@120R(2)|M~Основание~C(0)@s30@",
     {"POV:IND", "POV:DATAN", "POV:DATAK", "POV:SROK", "POV:VID", "POV:MESTO", "POV:DOCUMENT", "POV:NUMD",
      "POV:DATAD", "POV:OSNOVA"},
     kFurtherTrainingForm,
     Recount::kLatestRecord,
     LatestRecordList::FurtherTraining},
    {kProfessionalTrainingList,
     "Podgot",
     "Профессиональная подготовка",
     "PODGOT",
     "POD:DATAN_KEY",
     "(POD:num=numg)",
     "10R(2)|M~ind~C(0)@n1@[43R(2)|M~начала~C(0)@d6.@43R(2)|M~окончания~C(0)@d6.@]|M~Дата~22R(5)|M~Срок~C(0)"
     "@n3b@120L(2)|M~Специальность~C(0)@s50@80L(2)|M~Группа спец.(Ф50)~C(0)@s50@[44L(2)|M~№~C(0)@s10@"
     "80L(2)|M~дата~C(0)@d6.@]|M~Диплом~",
     {"POD:IND", "POD:DATAN", "POD:DATAK", "POD:SROK", "POD:SPEC", "POD:SPEC50", "POD:NUMD", "POD:DATAD"},
     kProfessionalTrainingForm,
     Recount::kLatestRecord,
     LatestRecordList::ProfessionalTraining},
    {kAttestationList,
     "Attestat",
     "Аттестация",
     "ATTESTAT",
     "ATT:DATAD_KEY",
     "(ATT:num=numg)",
     "10L(2)|M~ind~C(0)@n1@86L(2)|M~Категория~C(0)@s20@86L(2)|M~Результат~C(0)@s20@[44L(2)|M~№~C(0)@s10@"
     "80L(2)|M~дата~C(0)@d6.@]|M~Документ~",
     {"ATT:IND", "ATT:KATEGOR", "ATT:REZULTAT", "ATT:NUMD", "ATT:DATAD"},
     kAttestationForm,
     Recount::kLatestRecord,
     LatestRecordList::Attestations},
    {kCertificateList,
     "Sertifik",
     "Сертификат",
     "SERTIFIK",
     "SER:DATAD_KEY",
     "(SER:num=numg)",
     "10R(2)|M~ind~C(0)@n1@50R(2)|M~Дата выдачи~C(0)@d6.@63L(11)|M~№ "
     "сертификата~C(0)@s10@80L(2)|M~Специальность"
     "~C(0)@s50@80L(2)|M~Группа спец.(Ф50)~C(0)@s50@80L(2)|M~Кем выдан~C(0)@s70@",
     {"SER:IND", "SER:DATAD", "SER:NUMD", "SER:SPEC", "SER:SPEC50", "SER:MESTO"},
     kCertificateForm,
     Recount::kLatestRecord,
     LatestRecordList::Certificates},
    {kLeaveList,
     "Otpusk",
     "Отпуска",
     "OTPUSK",
     "OTP:DATANR_KEY",
     "(OTP:num=numg)",
     "[45R(2)|M~с~C(0)@d6.@45R(2)|M~по~C(0)@d6.@]|M~Период работы~60L(2)|M~Основание~C(0)@s20@"
     "[40L(2)|M~отпуска~C(0)@s10@]|M~Вид~[30R(2)|M~раб. дней~C(0)@n3b@]|M~К-во~[16R(2)|M~1~C(0)@n3b@"
     "16R(2)|M~2~C(0)@n3b@16R(2)|M~3~C(0)@n3b@22R(2)|M~всего~C(0)@n3b@]|M~Дополнительный отпуск~"
     "22R(2)|M~Итого~C(0)@n3b@[45R(2)|M~начала~C(0)@d6.@45R(2)|M~окончания~C(0)@d6.@]|M~Отпуск~",
     {"OTP:DATANR", "OTP:DATAKR", "OTP:OSNOVA", "OTP:VID", "OTP:SROK", "OTP:SROK1", "OTP:SROK2", "OTP:SROK3",
      "OTP:SROKS", "OTP:SROK_ITOG", "OTP:DATAN", "OTP:DATAK"},
     kLeaveForm},
    {kFamilyList,
     "Sostav",
     "Состав семьи",
     "SOSTAV",
     "SOS:NUM_KEY",
     "(SOS:num=numg)",
     "52L(2)|M~Отношение~C(0)@s20@70L(2)|M~Фамилия~C(0)@s20@70L(2)|M~Имя~C(0)@s20@70L(2)|M~Отчество~C(0)@s20@"
     "80L(2)|M~Дата рождения~C(0)@d6.@",
     {"SOS:IGDIVEN", "SOS:FAM", "SOS:NOM", "SOS:PER", "SOS:DATR"},
     kFamilyForm},
};

}  // namespace

std::span<const ChildListDescription> childLists() {
  return kChildLists;
}

const ChildListDescription* findChildList(std::uint16_t number) {
  const auto found =
      std::find_if(std::begin(kChildLists), std::end(kChildLists),
                   [number](const ChildListDescription& list) { return list.number == number; });
  return found == std::end(kChildLists) ? nullptr : &*found;
}

}  // namespace veltrano::app::card
