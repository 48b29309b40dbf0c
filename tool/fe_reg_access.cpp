#include "fe_reg.h"

int32_t fe_reg_access()
{
    const fe_reg_req &req = fe_reg_request;
    if (req.do_read != 0) {
        uint8_t data = 0;
        return fe_reg_read(req.read_reg, &data);
    }
    if (req.do_write != 0)
        return fe_reg_write(req.write_reg, req.write_value);
    if (req.do_dump != 0)
        return fe_reg_dump(req.dump_first, req.dump_last);
    if (req.do_modify != 0)
        return fe_reg_modify(req.modify_reg, req.modify_value, req.modify_mask);
    return 0;
}
